#version 330 core

in vec3 viewNormal;
in vec3 viewPosition;
in vec2 uv;

layout(std140) uniform LightingInfo {
    vec3 lightPosition; // in the camera's rotation frame
    vec3 ambientColour;
    vec3 lightColour;
};

uniform sampler2D diffuse1;
uniform vec3 kD;
uniform vec3 kS;
uniform int shininess;

out vec4 fragColour;

void main()
{
    vec3 n = normalize(viewNormal);
    vec3 l = normalize(lightPosition);
    vec3 v = normalize(-viewPosition);
    float diffuse = max(dot(n, l), 0.0);
    float specular = diffuse > 0.0 ? pow(max(dot(reflect(-l, n), v), 0.0), max(float(shininess), 1.0)) : 0.0;
    vec3 albedo = texture(diffuse1, uv).rgb * (length(kD) > 0.0 ? kD : vec3(1.0));
    fragColour = vec4(albedo * (ambientColour + lightColour * diffuse) + kS * specular, 1.0);
}
